// A name in a state's value that is neither one of the state's values nor
// a global is an error at the name.
//? error 9 unknown name 'Sideways' in the value
float4 ps_main() : COLOR0 { return 1; }
technique T
{
    pass
    {
        PixelShader = compile ps_2_0 ps_main(); CullMode = (Sideways);
    }
}
