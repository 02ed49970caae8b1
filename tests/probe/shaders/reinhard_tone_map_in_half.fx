// Reinhard tone mapping written in half, as shaders of the era did: the
// luminance through a static const vector, a white point from a global,
// max against a half literal.
//? entry ps_2_0 main()
//? size 4 4
//? abs 2e-4
//? expect at 0 0 = 0 0 0.509786 1
//? expect at 1 0 = 1.11198 0 0.555989 1
//? expect at 2 0 = 2.35501 0 0.588751 1
//? expect at 3 0 = 3.67916 0 0.613194 1
//? expect at 0 1 = 0 1.24134 0.620669 1
//? expect at 1 1 = 1.27609 1.27609 0.638044 1
//? expect at 2 1 = 2.6081 1.30405 0.652026 1
//? expect at 3 1 = 3.98112 1.32704 0.66352 1
//? expect at 0 2 = 0 2.66895 0.667238 1
//? expect at 1 2 = 1.35256 2.70512 0.676281 1
//? expect at 2 2 = 2.73598 2.73598 0.683994 1
//? expect at 3 2 = 4.14391 2.76261 0.690651 1
//? expect at 0 3 = 0 4.15721 0.692869 1
//? expect at 1 3 = 1.3968 4.19041 0.698401 1
//? expect at 2 3 = 2.81313 4.21969 0.703282 1
//? expect at 3 3 = 4.24572 4.24572 0.70762 1
static const float3 LUM = float3(0.2125f, 0.7154f, 0.0721f);
float WhiteCutoff = 0.8f;
half4 main(half2 uv : TEXCOORD0) : COLOR
{
    half3 c = half3(uv * 4, 0.5);
    half L = dot(c, LUM);
    half Ld = L * (1 + L / (WhiteCutoff * WhiteCutoff)) / (1 + L);
    return half4(c * (Ld / max(L, 0.0001h)), 1);
}
