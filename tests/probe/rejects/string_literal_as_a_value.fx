// A string literal is no value in a shader's code: not a condition, not an
// operand. A string global with its annotation is taken.
//? entry ps_3_0 main()
//? error 9 a string is no value in a shader's code
string Title < string UIName = "title"; > = "Scene";
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    float r = 0.5;
    if (uv.x > 0.5 && "on")
        r = 0.25;
    return r;
}
