// A struct's name is a type: a variable cannot take it (glslang's compiler
// crashed on it).
//? entry ps_3_0 main()
//? error 6 is a struct
struct Light { float4 colour; };
float Light;
float4 main() : COLOR0
{
    return float4(0.5, 0.25, 0, 1);
}
