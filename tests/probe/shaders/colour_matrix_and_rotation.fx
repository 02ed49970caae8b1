// Colour grading by a 3 x 3 matrix global with its initial value, mul of
// matrix by vector, then a 2 x 2 rotation of two channels (vector by matrix).
//? entry ps_2_0 main()
//? size 4 4
//? abs 1e-4
//? expect at 0 0 = 0.08925 -0.00525 0.0655 1
//? expect at 1 0 = 0.182 -0.01075 0.1335 1
//? expect at 2 0 = 0.27475 -0.01625 0.2015 1
//? expect at 3 0 = 0.3675 -0.02175 0.2695 1
//? expect at 0 1 = 0.271125 -0.015625 0.199 1
//? expect at 1 1 = 0.363875 -0.021125 0.267 1
//? expect at 2 1 = 0.456625 -0.026625 0.335 1
//? expect at 3 1 = 0.549375 -0.032125 0.403 1
//? expect at 0 2 = 0.453 -0.026 0.3325 1
//? expect at 1 2 = 0.54575 -0.0315 0.4005 1
//? expect at 2 2 = 0.6385 -0.037 0.4685 1
//? expect at 3 2 = 0.73125 -0.0425 0.5365 1
//? expect at 0 3 = 0.634875 -0.036375 0.466 1
//? expect at 1 3 = 0.727625 -0.041875 0.534 1
//? expect at 2 3 = 0.820375 -0.047375 0.602 1
//? expect at 3 3 = 0.913125 -0.052875 0.67 1
float3x3 ColorMatrix = { 0.393, 0.769, 0.189,
                         0.349, 0.686, 0.168,
                         0.272, 0.534, 0.131 };
float4 main(float2 uv : TEXCOORD0) : COLOR
{
    float4 c = float4(uv, 0.5, 1);
    c.rgb = mul(ColorMatrix, c.rgb);
    float2x2 r = { 0.5, -0.5, 0.5, 0.5 };
    c.rg = mul(c.rg, r);
    return c;
}
