// sign gives ints: a division of it by an int truncates.
//? entry ps_3_0 main()
//? ps c0 = -3 2 0 0
//? expect 0 0 -1 0.5
float4 v : register(c0);
float4 main() : COLOR0
{
    return float4(sign(v.x) / 2, sign(v.y) / 2, sign(v.x), v.y / 4);
}
