// A matrix converts into a shape it contains (its top left); a float1x3
// does not contain a float3x1.
//? entry ps_3_0 main()
//? error 5 cannot convert
float3x1 Column(float1x3 row) { return row; }
float4 main() : COLOR0
{
    return Column(float1x3(0.25, 0.5, 0.75))._11;
}
