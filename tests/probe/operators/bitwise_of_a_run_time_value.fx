// A bitwise operator on a value the shader computes has no instruction in
// shader model 2 or 3, even where its other operand is a constant.
//? entry ps_3_0 main()
//? error 9 bitwise operators are not available in shader models 2 and 3
#define FLAG_FOG 2
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    int level = (int)(uv.x * 4);
    return (level & FLAG_FOG) * 0.5;
}
