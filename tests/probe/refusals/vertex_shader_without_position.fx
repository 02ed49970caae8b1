// Every vertex shader writes a POSITION: one whose outputs (a struct's
// members too) have none is an error at its name.
//? entry vs_3_0 main()
//? error 7 a vertex shader must output a POSITION
struct Out { float4 colour : COLOR0; float4 uv : TEXCOORD0; };
float4 tint;
Out main(float4 p : POSITION, float4 uv : TEXCOORD0)
{
    Out o = { tint, uv };
    return o;
}
