// mul with a row_major matrix: its registers are its rows.
//? entry ps_3_0 main()
//? ps c0 = 1 0 0 10  0 1 0 20  0 0 1 30  0 0 0 1
//? expect 10 20 30 1
row_major float4x4 m;
float4 main() : COLOR0
{
    return mul(m, float4(0, 0, 0, 1));
}
