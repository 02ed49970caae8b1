// A float2x2 and a float4 meet in an operator element by element, the
// vector's components along the matrix's rows; the result converts to
// either type, and "m *= v" multiplies element by element too.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 55 160 40 90
float4 v : register(c0);
float4 main() : COLOR0
{
    float2x2 m = float2x2(10, 20, 30, 40);
    float4 s = m + v;                   // 11 22 33 44
    float2x2 p = v * m;                 // 10 40 / 90 160
    float2x2 q = m;
    q *= v;
    return float4(s.x + s.w, q._22, p._12, p._21);
}
