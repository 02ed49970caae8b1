// A matrix cast to an array of vectors takes its rows, a struct cast to an
// array of floats its members in turn, as an assignment or as arguments.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 3 4 2 8
float4 v : register(c0);
struct S { float a; float2 b; float c; };
float pick(float f[4], int i) { return f[i]; }
float sum(float4 r[2]) { return r[0].w + r[1].z; }
float4 main() : COLOR0
{
    S s = (S)v;                             // 1, (2, 3), 4
    float2x4 m = float2x4(v, v.yxwz);       // 1 2 3 4 / 2 1 4 3
    float4 rows[2];
    rows = (float4[2])m;
    return float4(pick((float[4])s, 2), rows[0].w, rows[1].x, sum((float4[2])m));
}
