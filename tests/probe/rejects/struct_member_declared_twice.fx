// A struct names each member once.
//? entry ps_3_0 main()
//? error 8 declared twice in struct
struct S
{
    float a;
    float2 b;
    float3 a;
};
float4 main() : COLOR0
{
    S s = (S)0;
    return s.b.xyxy;
}
