// tex2D takes the first two components of a longer coordinate (with the
// truncation warning): z and w play no part in the read.
//? entry ps_3_0 main()
//? warning 9 implicit truncation
//? abs 0.01
//? expect 0 0 0 1
texture Checker < string ResourceName = "not_here.png"; >;
sampler2D S = sampler_state { Texture = <Checker>; };
float4 main() : COLOR0 { return tex2D(S, float4(1.5 / 8, 0.5 / 8, 5, 7)); }
