//? entry ps_3_0 main()
//? error 3 'tbuffer' is a buffer of textures
tbuffer Lights
{
    float4 colour;
};
float4 main() : COLOR0
{
    return colour;
}
