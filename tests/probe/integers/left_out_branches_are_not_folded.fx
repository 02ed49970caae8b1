// What the preprocessor leaves out is not folded: no division by zero there.
//? entry ps_3_0 main()
//? expect 0.5 0.5 0.5 0.5
#if 0
uint big = 3000000000;
static const int broken = 5 / 0;
#endif
float4 main() : COLOR0
{
    return 0.5;
}
