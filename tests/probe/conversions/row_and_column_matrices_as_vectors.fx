// A 1xN or Nx1 matrix is used as a vector of N components, both ways.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 2 4 6 8
float4 v : register(c0);
float4 twice(float4 a) { return a * 2; }
float4 main() : COLOR0
{
    float1x4 row = v;
    float4x1 column = v;
    float4 a = row;
    float4 b = twice(column);
    return (a + b) * 0.5 + (float4)row * 0.5;
}
