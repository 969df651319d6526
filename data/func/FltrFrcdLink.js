// Forced-link filter: gets "--[start]" + the page text (with "/" written as
// "#esc_slash#" and " " as "#esc_space#") and prints "[start]" + the page with
// every bare URL turned into a link: pictures into <img src>, anything else
// into <a href>. URLs inside tags, comments, links, scripts and styles stay.
var arg = WScript.Arguments.length > 0 ? WScript.Arguments(0) : "";
var at = arg.indexOf("[start]");

var URL_RE = /(?:https?|ftp):\/\/[\w\-.~:\/?#\[\]@!$&*+,;=%]+/g;
var PIC_RE = /\.(?:jpe?g|gif|png|bmp|webp)$/i;
var TAG_RE = /<!--[\s\S]*?-->|<[a-zA-Z\/!?][^>]*>/g;
var SKIP = { a: true, script: true, style: true, textarea: true, title: true };

function linkify(text) {
    return text.replace(URL_RE, function (url) {
        var tail = "";
        var end = /[.,;:!?\]]+$/.exec(url);
        if (end) {
            tail = end[0];
            url = url.substring(0, url.length - tail.length);
        }
        if (!/^[a-z]+:\/\/[^\/?#]/i.test(url)) return url + tail;
        var path = url.replace(/[?#].*$/, "");
        if (PIC_RE.test(path)) return "<img src=\"" + url + "\">" + tail;
        return "<a href=\"" + url + "\">" + url + "</a>" + tail;
    });
}

function forceLinks(html) {
    var out = [];
    var last = 0;
    var skip = null;  // the element whose end tag ends a part left alone
    var m;
    TAG_RE.lastIndex = 0;
    while ((m = TAG_RE.exec(html)) !== null) {
        var part = html.substring(last, m.index);
        out.push(skip ? part : linkify(part));
        var tag = m[0];
        var name = /^<(\/?)([a-zA-Z][a-zA-Z0-9]*)/.exec(tag);
        if (name) {
            var lower = name[2].toLowerCase();
            if (!skip && !name[1] && SKIP[lower] && !/\/\s*>$/.test(tag)) skip = lower;
            else if (skip && name[1] && lower === skip) skip = null;
        }
        out.push(tag);
        last = TAG_RE.lastIndex;
    }
    var rest = html.substring(last);
    out.push(skip ? rest : linkify(rest));
    return out.join("");
}

if (at >= 0) {
    var text = arg.substring(at + 7);
    text = text.split("#esc_space#").join(" ").split("#esc_slash#").join("/");
    WScript.StdOut.Write("[start]" + forceLinks(text));
}
