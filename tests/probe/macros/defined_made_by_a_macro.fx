// A 'defined' that a macro's body makes on a #if line tests the name
// after it, which is not expanded first (A is defined as nothing), a
// macro's argument there too.
//? entry ps_3_0 main()
//? expect 0.5 0.25 0 1
#define HAS(name) defined(name)
#define HAS_A defined(A)
#define HAS_B defined B
#define A
#if HAS_A && !HAS_B && HAS(A)
static float a = 0.5;
#else
static float a = 0;
#endif
#define B 0
#if HAS_B && HAS(B)
static float b = 0.25;
#else
static float b = 0;
#endif
float4 main() : COLOR0 { return float4(a, b, 0, 1); }
