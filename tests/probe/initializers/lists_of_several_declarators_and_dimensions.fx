// A list fills the declarator it follows, wherever that stands in a
// statement of several ("float a = 1, b[2] = {2, 3}"), and an array of two
// dimensions takes one list of lists, or its values flat.
//? entry ps_3_0 main()
//? ps c0 = 0.5 0 0 0
//? expect 1.5 6 3.5 1
float4 v : register(c0);
static float g = 1, h[2] = {2, 3}, t[2][2] = {{4, 5}, {6, 7}};
float4 main() : COLOR0 {
    float a = v.x, b[3] = {1, v.x, 2}, c;
    float2 flat[2][2] = {1, 2, 3, 4, 5, 6, 7, 8};
    c = flat[1][0].y;
    return float4(a + g, t[1][0], h[1] + b[1], b[2] + flat[0][1].x - c + 4 - 1 - g);
}
