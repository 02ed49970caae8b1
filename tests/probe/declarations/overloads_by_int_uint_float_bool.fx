// Overloads that differ by int, uint, float or bool are told apart by the
// argument's declared type (ints are floats at run time, yet keep their
// type for the choice), by vector width and by array size.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 1 2 3 4
float4 v : register(c0);
float kind(int a) { return 1; }
float kind(uint a) { return 2; }
float kind(float a) { return 3; }
float kind(bool a) { return 4; }
float size(float a[2]) { return 10; }
float size(float a[3]) { return 20; }
float4 main() : COLOR0
{
    int i = (int)v.x;
    uint u = 2;
    bool b = v.y > 0;
    float two[2] = { 0, 0 };
    float three[3] = { 0, 0, 0 };
    return float4(kind(i), kind(u), kind(v.z) + size(two) - 10, kind(b) + size(three) - 20);
}
