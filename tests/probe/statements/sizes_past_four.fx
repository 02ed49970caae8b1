// Vectors have 1 to 4 components, matrices 1 to 4 rows and columns, in
// every spelling.
//? entry ps_3_0 main()
//? error 8 1 to 4 components, not 5
float4 main() : COLOR0
{
    vector<float, 4> v = float4(0.5, 0.25, 0, 1);
    vector<float, 5> w = 0;
    return v;
}
