// packoffset(cN) in a cbuffer places the member like register(cN).
//? entry ps_3_0 main()
//? ps c0 = 1 0 0 0  2 0 0 0  3 0 0 0
//? expect 3 1 0 0
cbuffer B
{
    float4 far : packoffset(c2);
    float4 near;
};
float4 main() : COLOR0
{
    return float4(far.x, near.x, 0, 0);
}
