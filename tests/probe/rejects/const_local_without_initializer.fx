// A local const needs an initializer: Direct3D 9 refuses one without.
//? entry ps_3_0 main()
//? error 7 const
float4 main() : COLOR0
{
    float4 s = 0.5;
    const float k;
    return s;
}
