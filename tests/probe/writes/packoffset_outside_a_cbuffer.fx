// packoffset places a cbuffer's members; a global outside one takes a register.
//? entry ps_3_0 main()
//? error 4 'tint': packoffset places a member of a cbuffer
float4 tint : packoffset(c1);
float4 main() : COLOR0
{
    return tint;
}
