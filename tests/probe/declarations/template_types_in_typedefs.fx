// vector<T, N> and matrix<T, R, C> behave as the names they stand for,
// in a typedef too: lists fill them, int ones truncate, bool ones hold 0/1.
//? entry ps_3_0 main()
//? ps c0 = 0.5 1.5 -2.5 3
//? expect 1 2 1 4.5
typedef vector<float, 3> v3;
typedef matrix<int, 2, 2> i22;
typedef vector<bool, 2> b2;
float4 v : register(c0);
float4 main() : COLOR0 {
    v3 a = {1, 2, 3};
    i22 m = {v.y, v.z, v.x + 1, a.z};
    b2 f = v.xy - 0.5;
    matrix<float, 1, 4> row = {f, m[1]};
    return float4(row[0][0] + f.y + m[1][0] - 1, m._11 + a.x, row._13 + m[0][1] + 2, v.w + a.y - row._12 * 0.5);
}
