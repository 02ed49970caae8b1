// A global the shader does not read takes no register: the one it reads is
// at c0.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? ps c1 = 9 9 9 9
//? expect 1 2 3 4
float4 unused;
float4 used;
float4 main() : COLOR0
{
    return used;
}
