// % of constants folds to what Direct3D 9 computes at run time, the
// truncating remainder, where its left side is a product or quotient of
// constants, a constructor, cast or intrinsic of them, on either side.
//? entry ps_3_0 main()
//? expect -2 1 3 4.5
static const float k = 7.5;
float4 main() : COLOR0
{
    float4 c = float4(7.5, 1, 1, 1) % 2.0;
    return float4(1 - 2 * 7.5 % 4.0, k * 2 / 3 % 2.0, (float)15 % 4, c.x + abs(-7.5) % 2.0 + 7.5 % (float)2 * 2 - 7.5 % abs(-2.0) * 2 + 7.5 % abs(-2.0));
}
