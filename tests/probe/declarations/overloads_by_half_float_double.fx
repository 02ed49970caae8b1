// Overloads that differ by half, float or double are three functions: a
// call takes the one its arguments' precisions match (a name's declared
// type, a cast, a constructor, a literal's suffix, a call's result), and
// float where none tells.
//? entry ps_3_0 main()
//? ps c0 = 0.5 0 0 0
//? expect 1 2 3 21
float4 v : register(c0);
float kind(half a) { return 1; }
float kind(float a) { return 2; }
float kind(double a);
float kind(double a) { return 3; }
float two(half a, float b) { return 10; }
float two(float a, half b) { return 20; }
half halved(float a) { return a / 2; }
float4 main() : COLOR0
{
    half h = v.x;
    double d = v.x;
    return float4(kind(h), kind(v.x), kind(d),
                  kind((half)v.x) + kind(half2(1, 2).x) + kind(1.0h) + kind(halved(1)) +
                  kind(1.0L) + kind(1) + kind(-(double)v.y) + two(v.x, h) - 11);
}
