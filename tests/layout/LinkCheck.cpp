// Linked with the whole of one engine library and nothing but the libraries it states: the link
// fails when the library calls into one it does not depend on (a hidden upward call).
int main() { return 0; }
