// mul of an equality's bool scales by 0 or 1
//? entry ps_3_0 main()
//? ps c0 = 0.25 0.25 0.5 1
//? expect 0.25 0.125 0.75 0.75
float4 v : register(c0);
float4 main() : COLOR0
{
  float4 x = float4(0.5, 0.25, 1, 1);
  float4 r = mul(v.x == v.y, x) * 0.5 + mul(v.x != v.y, x);
  float2 q = (v.z >= 0) * float2(0.5, 0.5) + (v.x <= v.y) * 0.25;
  return float4(r.xy, q);
}
