// A global const without an initializer is a parameter the program sets.
//? entry ps_3_0 main()
//? ps c0 = 0.25 0.5 0.75 1
//? expect 0.25 0.5 0.75 1
const float4 tint : register(c0);
float4 main() : COLOR0
{
    static const float one = 1;
    return tint * one;
}
