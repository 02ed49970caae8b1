// A name declared nowhere is an error at the name, the last branch of a
// ?: given to a call too.
//? entry ps_3_0 main()
//? error 9 'fallback': unknown variable
float Same(float x) { return x; }
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    float x = uv.x;
    return Same(x > 0.5 ? x : fallback);
}
