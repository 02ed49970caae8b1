// SV_IsFrontFace on a float is VFACE, the face's sign: negative for a face
// counter-clockwise on screen.
//? entry ps_3_0 main()
//? winding ccw
//? expect -1 0 0 1
float4 main(float face : SV_IsFrontFace) : COLOR0
{
    return float4(face, 0, 0, 1);
}
