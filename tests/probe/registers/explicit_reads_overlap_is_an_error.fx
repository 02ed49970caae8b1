// Two explicit registers whose reads overlap: the matrix reads c0-c3, and
// v is placed at c2.
//? entry ps_3_0 main()
//? error 6 'v' at register c2 reads c2, which 'm' at register c0 also reads
float4x4 m : register(c0);
float4 v : register(c2);
float4 main() : COLOR0
{
    return mul(m, v);
}
