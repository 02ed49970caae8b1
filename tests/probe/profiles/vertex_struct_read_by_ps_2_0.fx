// The struct a vertex shader writes may be what a ps_2_0 pixel shader takes:
// its POSITION, which ps_2_0 cannot read, is dropped.
//? entry ps_2_0 main()
//? size 2 1
//? expect at 0 0 = 0 0 0 1
//? expect at 1 0 = 0.5 0 0 1
struct VertexOut {
    float4 position : POSITION;
    float4 uv : TEXCOORD0;
};
float4 main(VertexOut v) : COLOR0
{
    return float4(v.uv.x, 0, 0, 1);
}
