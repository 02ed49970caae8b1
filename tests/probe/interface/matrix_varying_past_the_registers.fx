// A float4x4 input takes four registers, one per column: at TEXCOORD5 it
// would reach TEXCOORD8, which ps_2_0 does not have.
//? entry ps_2_0 main()
//? error 5 TEXCOORD5
float4 main(float4x4 m : TEXCOORD5) : COLOR0
{
    return m[0];
}
