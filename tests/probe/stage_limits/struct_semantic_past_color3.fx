// A returned struct's semantic numbers its members: the third of COLOR2 is
// COLOR4, past the four colours a pixel shader writes.
//? error 6 reaches COLOR4
struct O { float4 a; float4 b; float4 c; };
O ps()
    : COLOR2
{
    O o = (O)0;
    return o;
}
technique T { pass P { PixelShader = compile ps_3_0 ps(); } }
