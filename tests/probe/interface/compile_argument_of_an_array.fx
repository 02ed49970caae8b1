// A uniform array parameter takes an array the compile statement names.
//? expect 0.25 0.5 0.75 1
float Levels[3] = { 0.25, 0.5, 0.75 };
float4 ps(uniform float levels[3]) : COLOR0
{
    return float4(levels[0], levels[1], levels[2], 1);
}
technique T { pass P { PixelShader = compile ps_2_0 ps(Levels); } }
