// Keywords of later shader models name no variable in any model: the error
// is at the word, not a ';' expected after it.
//? entry ps_2_0 main()
//? error 7 'unorm' is a keyword; it cannot name a variable
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    float4 unorm = uv.xyxy;
    return unorm;
}
