// VFACE is negative for a face that is counter-clockwise on screen.
//? entry ps_3_0 main()
//? winding ccw
//? expect -1 0 0 1
float4 main(float face : VFACE) : COLOR0
{
    return float4(face > 0 ? 1 : -1, 0, 0, 1);
}
