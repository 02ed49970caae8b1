// An entry point's return value needs a semantic.
//? entry ps_3_0 main()
//? error 4 semantic
float4 main()
{
    return 0.5;
}
