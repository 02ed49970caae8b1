// Inputs read per sample (and the `sample` keyword) came with shader model 4.1.
//? entry ps_3_0 main()
//? error 4 'sample'
float4 main(sample float4 c : TEXCOORD0) : COLOR0
{
    return c;
}
