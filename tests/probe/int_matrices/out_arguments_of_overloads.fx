// A call whose out argument is an int or bool matrix converts what the
// function writes back when overloads of the function take as many
// arguments too: the overload the arguments fit is the one called.
//? entry ps_3_0 main()
//? ps c0 = 1.75 -2.5 0.25 3.5
//? expect 1 -2 1 7
float4 v : register(c0);
void Set(out float2x2 m, float k) { m = float2x2(v.x, v.y, v.z, k); }
void Set(out float3x3 m, float k) { m = k; }
void Set(out float4 m, float k) { m = k * 2; }
float4 main() : COLOR0
{
    int2x2 a;
    Set(a, v.w);
    bool3x3 b;
    Set(b, 0.5);
    float4 c;
    Set(c, v.w);
    return float4(a[0].x, a[0].y, b._m12, c.y);
}
