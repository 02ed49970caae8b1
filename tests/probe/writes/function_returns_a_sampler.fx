// A sampler is read where it is named, never returned by a function.
//? entry ps_3_0 main()
//? error 5 'pick' returns a sampler ('sampler2D'): a function cannot return one
sampler2D s;
sampler2D pick() { return s; }
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return tex2D(pick(), uv);
}
