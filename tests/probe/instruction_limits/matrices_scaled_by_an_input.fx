// A float4x4 times a scalar is four instructions, one per row: eight bone
// matrices weighted by the vertex's blend weights and summed fit vs_1_1's
// 128 (about 70 here), though their components number 8 x 16. The stream
// carries no blend weights, so both read (0, 0, 0, 1): Bones[3] + Bones[7].
//? entry vs_1_1 main()
//? vs c12 = 0.25 0.25 0.25 0.25 0.25 0.25 0.25 0.25 0.25 0.25 0.25 0.25 0.25 0.25 0.25 0.25
//? vs c28 = 0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5
//? expect 0.75 0.75 0.75 0.75
float4x4 Bones[8];
struct VOut { float4 p : POSITION; float4 t : TEXCOORD0; };
VOut main(float4 p : POSITION, float4 w0 : BLENDWEIGHT0, float4 w1 : BLENDWEIGHT1)
{
    float w[8] = { w0.x, w0.y, w0.z, w0.w, w1.x, w1.y, w1.z, w1.w };
    float4x4 m = 0;
    for (int i = 0; i < 8; i++)
        m += Bones[i] * w[i];
    VOut o;
    o.p = p;
    o.t = mul(float4(1, 0, 0, 0), m);
    return o;
}
