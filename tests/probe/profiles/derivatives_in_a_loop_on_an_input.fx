// A loop that ends on an input turns a different number of times in
// neighbouring pixels: a tex2D at coordinates that change per turn needs
// the loop unrolled, which it cannot be. tex2Dgrad is how such a loop reads.
//? entry ps_3_0 main()
//? error 13 tex2D
sampler2D s;
float4 main(float4 uv : TEXCOORD0) : COLOR0
{
    float4 r = 0;
    float2 at = uv.xy;
    for (int i = 0; i < uv.z * 8; i++) {
        r += tex2Dgrad(s, at, 0, 0);
        r += tex2D(s, at);
        at += 0.01;
    }
    return r;
}
