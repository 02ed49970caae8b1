// A uniform parameter of an entry point takes its value from the compile
// statement and needs no semantic.
//? entry ps_3_0 main(0.5)
//? expect 0.5 0.5 0.5 0.5
float4 main(float4 c : COLOR0, uniform float k) : COLOR0
{
    return c * k;
}
