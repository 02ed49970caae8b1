// A uniform vector or matrix indexed at run time reads the whole value from
// its registers: components of v by a loop counter, rows of m by a value
// computed in the shader.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4  2 0 0 0
//? ps c2 = 1 0 0 0  0 0.5 0 7  0 0 0.25 0  0 0 0 2
//? expect 10 7.5 0.25 2
float4 v : register(c0);
float which : register(c1);
float4x4 m : register(c2);
float4 main() : COLOR0
{
    float4 r = 0;
    for (int i = 0; i < 4; i++) r.x += v[i];
    int row = (int)which;
    r.y = m[row - 1].y + m[row + 1].y;
    r.zw = m[row].zw + m[row + 1].zw;
    return r;
}
