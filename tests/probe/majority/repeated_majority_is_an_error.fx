// A majority modifier given twice is an error, also on a local.
//? entry ps_3_0 main()
//? error 7 'row_major' is repeated
float4x4 m;
float4 main() : COLOR0
{
    row_major row_major float4x4 local = m;
    return local[0];
}
