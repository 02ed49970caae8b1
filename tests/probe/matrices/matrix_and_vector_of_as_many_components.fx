// A float2x2 and a float4 meet in an operator element by element, the
// vector's components along the matrix's rows; the result converts to
// either type.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 11 44 40 90
float4 v : register(c0);
float4 main() : COLOR0
{
    float2x2 m = float2x2(10, 20, 30, 40);
    float4 s = m + v;
    float2x2 p = v * m;
    return float4(s.x, s.w, p._12, p._21);
}
