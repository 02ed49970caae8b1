// A stateblock variable holds states this program has no use for: the
// declaration loads with a warning, in each of its forms (one block, the
// block right after the name, an array of blocks), and a pass that names
// it draws as if it did not.
//? warning 12 the state block 'Pair' is ignored
stateblock Opaque = stateblock_state
{
    ZEnable = true;
    CullMode = CCW;
};
stateblock Loose { AlphaBlendEnable = false; };
stateblock Pair[2] = { stateblock_state { ZWriteEnable = false; },
                       stateblock_state { SrcBlend = One; DestBlend = Zero; } };
float4 Tint = { 0.25, 0.5, 0.75, 1 };
float4 ps_main() : COLOR0 { return Tint; }
//? expect 0.25 0.5 0.75 1
technique T { pass { PixelShader = compile ps_2_0 ps_main(); } }
