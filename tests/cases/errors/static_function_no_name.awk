# static function without a name.
static function { }
