// 'class' is a word the language reserves: it names no variable, a global
// that no shader reads included.
//? entry ps_3_0 main()
//? error 5 'class' is a reserved word
float class = 0.5;
float4 main() : COLOR0 { return float4(0.5, 0.25, 0, 1); }
