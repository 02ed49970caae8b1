// faceforward of scalars is n turned to face against i: n where i * ng is
// negative, -n else; mul of a comparison's bool scales by 0 or 1, and of
// two comparisons is their product.
//? entry ps_3_0 main()
//? ps c0 = 0.5 -1 2 3
//? expect 0.5 -0.5 3 1
float4 v : register(c0);
float4 main() : COLOR0
{
    float toward = faceforward(v.x, v.y, v.z);
    float away = faceforward(v.x, -v.y, v.z);
    return float4(toward, away, mul((v.z > 1), v.w), mul(v.x < v.z, (v.w > 2)));
}
