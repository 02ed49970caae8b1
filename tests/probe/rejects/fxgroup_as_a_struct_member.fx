// fxgroup is an effect keyword: not a struct member's name.
//? entry ps_3_0 main()
//? error 6 fxgroup
struct Tint
{
    float4 fxgroup;
};
float4 main() : COLOR0
{
    Tint t;
    t.fxgroup = 0.5;
    return t.fxgroup;
}
