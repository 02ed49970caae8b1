// A 1x1 matrix of any type is one value: its row m[0], element m[0][0],
// swizzle _11, transpose and determinant all read it.
//? entry ps_3_0 main()
//? ps c0 = 3 -2.5 0 0
//? expect 3 3 -2 1
float4 v;
float4 main() : COLOR0
{
    float1x1 m = v.x;
    float1x1 t = transpose(m);
    int1x1 i = v.y;
    bool1x1 b[2];
    b[1] = v.x;
    return float4(m[0][0], t[0].x + determinant(m) - m._11, i[0][0], b[1][0][0]);
}
