// Pre-URL-extraction filter: gets "--[start]" + the page text (with "/" written as
// "#esc_slash#" and " " as "#esc_space#") and prints "[start]" + the text whose
// links are extracted. This default gives the page back unchanged.
var arg = WScript.Arguments.length > 0 ? WScript.Arguments(0) : "";
var at = arg.indexOf("[start]");
if (at >= 0) {
    var text = arg.substring(at + 7);
    text = text.split("#esc_space#").join(" ").split("#esc_slash#").join("/");
    WScript.StdOut.Write("[start]" + text);
}
