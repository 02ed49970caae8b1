// A compound assignment (+=, -=, *=, /=) to an int or bool matrix converts
// its result again wherever the matrix is: a member of a struct, of a
// struct in a struct or in an array, an element of an array member, a row
// or an element of one; a uniform reads its registers as ints first.
//? entry ps_3_0 main()
//? size 5 1
//? ps c0 = 1.75 -2.5 0.25 3.5
//? ps c4 = 1.5 -2.5 0 0  0.75 3.9 0 0
//? expect at 0 0 = 1 -1 2 3
//? expect at 1 0 = 0 1 1 1
//? expect at 2 0 = 3 3 1 1
//? expect at 3 0 = 2 3 2 2
//? expect at 4 0 = 1 -1 0 3
float4 v : register(c0);
row_major int2x2 u : register(c4);
struct I { int2x2 m; uint3x3 n; };
struct O { I inner; bool2x2 b; };
struct T { int2x2 k[2]; };
float4 main(float2 p : VPOS) : COLOR0
{
    O o;
    o.inner.m = float2x2(3, -3, 5, 7);
    o.inner.m *= 0.5;
    o.inner.n = 0;
    o.b = float2x2(0, 1, 0, 1);
    o.b += float2x2(0, 0.5, -0.5, 0);
    o.b *= 2;
    O arr[2];
    arr[1].inner.m = 0;
    arr[1].inner.n = 7;
    arr[1].inner.n /= 2;
    arr[1].inner.n[2] -= v.x;
    arr[1].b = 0;
    T t;
    t.k[0] = 0;
    t.k[1] = v.w;
    t.k[1] -= 0.75;
    t.k[1]._m01 += 1.5;
    u += 0.5;
    u[1] += 0.5;
    if (p.x < 1) return float4(o.inner.m[0], o.inner.m[1]);
    if (p.x < 2) return float4(o.b[0], o.b[1]);
    if (p.x < 3) return float4(arr[1].inner.n[0].xy, arr[1].inner.n[2].xz);
    if (p.x < 4) return float4(t.k[1][0], t.k[1][1]);
    return float4(u[0], u[1]);
}
