// row_major applies to matrices only.
//? entry ps_3_0 main()
//? error 4 'row_major' applies to matrices, not to 'float4'
row_major float4 v;
float4 main() : COLOR0
{
    return v;
}
