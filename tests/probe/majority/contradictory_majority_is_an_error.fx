// row_major and column_major together contradict each other.
//? entry ps_3_0 main()
//? error 4 'row_major' and 'column_major' contradict each other
row_major column_major float4x4 m;
float4 main() : COLOR0
{
    return m[0];
}
