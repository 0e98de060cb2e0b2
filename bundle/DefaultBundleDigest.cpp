// The digest of a program that carries no bundle: none, so the check is off and the load
// reports the missing resource. An archive member of its own, which the linker takes only
// when no embedded bundle defined the digest already.
extern "C" const char vantreel_app_web_zip_sha256[] = "";
