// Words after #endif, #else, #ifdef NAME or #undef NAME are a warning, as
// C compilers give it, and the directive works as without them.
//? entry ps_3_0 main()
//? warning 10 unexpected tokens following preprocessor directive '#endif'
//? expect 0.25 0.25 0.25 0.25
#ifdef HALF
static const float k = 0.5;
#else
static const float k = 0.25;
#endif HALF
float4 main() : COLOR0 { return k; }
