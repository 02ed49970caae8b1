// mul of an int scalar that the effect's function returns scales the other
// argument by it, as of an int variable.
//? entry ps_3_0 main()
//? ps c0 = 2.5 -1.5 0 1
//? expect 5 -1.5 0 2
float4 v;
int Whole(float x) { return x; }
float4 main() : COLOR0
{
    return mul(Whole(v.x), float4(v.x, v.y, 0, 1)) + mul(float4(0, v.y, 0, 0), Whole(v.y));
}
