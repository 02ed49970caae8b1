// faceforward(n, i, ng) of vectors of different lengths is computed on the
// shortest, with the truncation warning: here dot(i, ng) of three
// components is 4.5 > 0, so the result is -n; a fourth component of ng
// that would turn the sign is cut away.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 -100
//? ps c1 = 0.5 -1 2 1
//? warning 14 implicit truncation of vector type
//? expect -1 -2 -3 1
float4 n : register(c0);
float4 i : register(c1);
float4 main() : COLOR0
{
    return float4(faceforward(n.xyz, i.xyz, n), 1);
}
