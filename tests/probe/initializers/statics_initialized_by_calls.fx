// A static global's initializer may call the effect's own functions: it runs
// when the shader starts, in the order of the declarations, before any
// function reads the static; a static initialized from one reads its value.
//? entry ps_3_0 main()
//? ps c0 = 2 0 0 0
//? expect 4 9 8 1
float4 k : register(c0);
float square(float x) { return x * x; }
int2x2 halves(float x) { return float2x2(x, 0, 0, x) / 2; }
static float fromUniform = square(k.x);
static const float nine = square(3);
static float eight = fromUniform * 2;
static int2x2 truncated = halves(3);
float read() { return eight; }
float4 main() : COLOR0
{
    return float4(fromUniform, nine, read(), truncated[0][0]);
}
