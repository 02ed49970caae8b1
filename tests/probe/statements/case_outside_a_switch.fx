// A case label belongs to a switch: outside one it is an error at the label
// (glslang's compiler crashed on it).
//? entry ps_3_0 main()
//? error 7 only allowed inside a switch
float4 main(float2 t : TEXCOORD0) : COLOR0
{
    case 1:
    return float4(t, 0, 1);
}
