// A C preprocessor's line marker ("# 30 "file" 1") numbers the next line as
// #line does: an effect run through one keeps its messages' places.
//? entry ps_3_0 main()
//? error 30 'missing_value': unknown variable
# 30 "lighting.fx" 1
float4 main() : COLOR0 { return missing_value; }
