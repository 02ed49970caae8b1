// cbuffer blocks in all their forms hold plain globals: with a register or
// not, a semicolon after the brace or not, struct members, and
// packoffset(cN) placing a member as register(cN) does.
//? entry ps_3_0 main()
//? ps c0 = 1 0 0 0  2 0 0 0  3 0 0 0  4 0 0 0  5 0 0 0  6 0 0 0
//? expect 1 2 5 6
struct Light { float4 color; float4 direction; };
cbuffer First : register(b0) { float4 a : packoffset(c0); };
cbuffer Second { Light light : packoffset(c1); }
cbuffer Third { float4 far : register(c4); float4 farther : packoffset(c5); }
float4 main() : COLOR0
{
    return float4(a.x, light.color.x, far.x, farther.x);
}
