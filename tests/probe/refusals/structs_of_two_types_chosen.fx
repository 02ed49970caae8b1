//? entry ps_3_0 main()
//? error 9 '?:' chooses between a A and a B
struct A { float k; };
struct B { float k; };
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    A a; B b;
    a.k = 0.5; b.k = 0.25;
    A c = uv.x > 2 ? a : b;
    return float4(c.k, 0.25, 0, 1);
}
