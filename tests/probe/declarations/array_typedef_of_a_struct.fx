// A typedef of an array of structs declares that many structs: its list
// fills them member by member, flat or braced, and it is passed whole.
//? entry ps_3_0 main()
//? expect 6 1 5 8
struct Item { float a; float2 b; };
typedef Item Items[2];
static const Items flat = { 1, 2, 3, 4, 5, 6 };
float sum(Items items) { return items[0].a + items[1].a + items[1].b.x; }
float4 main() : COLOR0
{
    Items braced = { { 1, { 2, 3 } }, { 4, 5, 6 } };
    braced[1].b.y += 2;
    return float4(flat[1].b.y, braced[0].a, sum(flat) - 5, braced[1].b.y);
}
