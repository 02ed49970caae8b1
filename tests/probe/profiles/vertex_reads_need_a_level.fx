// A vertex shader has no neighbours to take a level from: tex2D is an error
// there, tex2Dlod is how vs_3_0 reads.
//? entry vs_3_0 main()
//? error 9 tex2D
sampler2D s;
float4 main(float4 p : POSITION, inout float4 uv : TEXCOORD0) : POSITION
{
    uv = tex2Dlod(s, float4(0.5, 0.5, 0, 0));
    uv += tex2D(s, float2(0.5, 0.5));
    return p;
}
