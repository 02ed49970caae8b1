// Functions are defined at global scope only (glslang's compiler crashed on
// one inside another).
//? entry ps_3_0 main()
//? error 7 cannot be defined inside another function
float4 main() : COLOR0
{
    float inner() { return 1; }
    return float4(0.5, 0.25, 0, 1);
}
