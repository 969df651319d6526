<html>
<head><meta charset="UTF-8"><title>サイト内検索の結果</title></head>
<body>
<h1>検索結果</h1>
<p>カラス (crow) に関するページ：<a href="docs/crow.html">カラスについて</a>, <a href="en/crow.html">About crows</a></p>
</body>
</html>
