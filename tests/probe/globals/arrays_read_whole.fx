// A uniform array, and a struct holding one, may be read whole: copied
// into a local or passed to a function.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? ps c1 = 10 20 30 40
//? ps c2 = 100 200 300 400
//? ps c3 = 0.5 0.25 0 0
//? ps c4 = 0.125 2 0 0
//? ps c5 = 1000 0 0 0
//? expect 1121.125 1244 1363.125 1486
float4 g[3];
struct B { float2 x[2]; float y; };
B b;
float4 Sum(float4 a[3]) { return a[0] + a[1] + a[2]; }
float4 main() : COLOR0
{
    float4 l[3] = g;
    B c = b;
    return Sum(g) + l[1] + c.x[1].xyxy + c.y;
}
