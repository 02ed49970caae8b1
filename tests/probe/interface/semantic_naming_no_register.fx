// A vertex input's semantic names a kind of register (POSITION, NORMAL,
// BLENDINDICES, ...); a name of one's own is an error.
//? entry vs_3_0 main()
//? error 5 'WEIGHTS'
float4 main(float4 p : POSITION, float4 w : WEIGHTS) : POSITION
{
    return p * w.x;
}
