// The shader-model-3 forms of tex1D (level, gradients, derivatives) read
// the first row as the plain one does.
//? entry ps_3_0 main()
//? warning 7 cannot open texture 'not_here.png'
//? abs 0.01
//? expect 1 0 1 0
texture Row < string ResourceName = "not_here.png"; >;
sampler1D S = sampler_state { Texture = <Row>; };
float4 main() : COLOR0
{
    const float a = 0.5 / 8, b = 1.5 / 8;
    float4 level = tex1Dlod(S, float4(a, 0.9, 0, 0));
    float4 grad = tex1Dgrad(S, b, 0, 0);
    float4 derivs = tex1D(S, a, 0, 0);
    return float4(level.r, grad.r, derivs.b, grad.b);
}
