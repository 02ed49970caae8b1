// A matrix global the code writes starts as its registers hold it, in the
// majority its typedef or #pragma pack_matrix gave it.
//? entry ps_3_0 main()
//? ps c0 = 1 2 0 0
//? ps c1 = 3 4 0 0
//? ps c2 = 5 6 0 0
//? ps c3 = 7 8 0 0
//? expect 2 2 10 8
typedef row_major float2x2 rmat;
rmat m : register(c0);
#pragma pack_matrix(row_major)
float2x2 p : register(c2);
float4 main() : COLOR0
{
    m._11 *= 2;
    p[0] *= 2;
    return float4(m[0].x, m[0].y, p[0].x, p[1].y);
}
