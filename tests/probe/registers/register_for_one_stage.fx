// register(ps, cN) places a global in pixel shaders only, register(vs, cN)
// in vertex shaders only; elsewhere it is allocated as any other.
//? entry ps_3_0 main()
//? ps c0 = 1 0 0 0
//? ps c1 = 0 2 0 0
//? ps c3 = 0 0 3 0
//? expect 1 2 3 0
float4 a : register(vs, c5);
float4 b;
float4 c : register(ps, c3) : register(vs, c7);
float4 main() : COLOR0
{
    return a + b + c;
}
