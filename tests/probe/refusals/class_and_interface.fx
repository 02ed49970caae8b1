// Shader models 2 and 3 declare types with struct: class is a reserved
// word, interfaces belong to shader model 5.
//? entry ps_3_0 main()
//? error 5 'class' is a reserved word
class Material { float4 colour; };
float4 main() : COLOR0 { Material m; m.colour = 1; return m.colour; }
