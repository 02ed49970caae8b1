// A const array's elements are as const as the array.
//? entry ps_3_0 main()
//? error 7 'steps' is const: its elements and members cannot be incremented
static const float steps[2] = { 0.25, 0.5 };
float4 main() : COLOR0
{
    steps[0]++;
    return steps[0];
}
