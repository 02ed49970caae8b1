// A state's value may name a global as textures are named, <Name>: its
// initial value, as (Name) and Name give it.
//? expect 0.25 0 0.75 0
int Channels = 5;  // red and blue
bool Blend = false;
float4 ps_main() : COLOR0 { return float4(0.25, 0.5, 0.75, 1); }
technique T
{
    pass
    {
        PixelShader = compile ps_2_0 ps_main();
        ColorWriteEnable = <Channels>;
        AlphaBlendEnable = <Blend>;
    }
}
