// Page-side part of the spell check, kept apart from the rest of the design view's runtime. It hands the
// host the body's text in one snapshot, selects a word that the host names by text node and offset, and
// replaces it as one undo unit. What a word is, and the walk over the words, is the host's.
(function () {
  'use strict';
  const runtime = window.__designRuntime;
  if (!runtime || runtime.spellText)
    return;

  // Text in these is not text of the page a reader sees, or cannot be selected in place.
  const skippedTags = ['SCRIPT', 'STYLE', 'TEXTAREA', 'SELECT', 'OPTION', 'NOSCRIPT', 'TITLE'];
  // Inline elements that still end a word: nothing reads across a picture, a control or a line break.
  const breakingTags = ['BR', 'IMG', 'INPUT', 'BUTTON', 'HR', 'OBJECT', 'EMBED', 'APPLET', 'IFRAME', 'VIDEO',
    'AUDIO', 'CANVAS', 'SVG', 'WBR'];

  let nodes = []; // the text nodes of the last snapshot, by index

  function textRuns() {
    nodes = [];
    const runs = [];
    const body = document.body;
    if (!body)
      return runs;
    const displays = new Map();
    function display(element) {
      let value = displays.get(element);
      if (value === undefined) {
        value = getComputedStyle(element).display;
        displays.set(element, value);
      }
      return value;
    }
    function blockOf(node) {
      for (let e = node.parentElement; e; e = e.parentElement)
        if (e === body || display(e) !== 'inline')
          return e;
      return body;
    }
    const walker = document.createTreeWalker(body, NodeFilter.SHOW_ELEMENT | NodeFilter.SHOW_TEXT, {
      acceptNode: function (node) {
        if (node.nodeType === Node.ELEMENT_NODE &&
            (skippedTags.includes(node.tagName.toUpperCase()) || display(node) === 'none'))
          return NodeFilter.FILTER_REJECT;
        return NodeFilter.FILTER_ACCEPT;
      }
    });
    let pendingBreak = false;
    let lastBlock = null;
    for (let node = walker.nextNode(); node; node = walker.nextNode()) {
      if (node.nodeType === Node.ELEMENT_NODE) {
        if (display(node) !== 'inline' || breakingTags.includes(node.tagName.toUpperCase()))
          pendingBreak = true;
        continue;
      }
      const block = blockOf(node);
      runs.push([node.data, pendingBreak || (lastBlock !== null && block !== lastBlock)]);
      nodes.push(node);
      pendingBreak = false;
      lastBlock = block;
    }
    return runs;
  }

  function rangeOf(first, firstOffset, last, lastOffset) {
    const start = nodes[first];
    const end = nodes[last];
    if (!start || !end || !document.body.contains(start) || !document.body.contains(end) ||
        firstOffset < 0 || firstOffset > start.data.length || lastOffset < 0 || lastOffset > end.data.length)
      throw new Error('stale text');
    const range = document.createRange();
    range.setStart(start, firstOffset);
    range.setEnd(end, lastOffset);
    const selection = document.getSelection();
    selection.removeAllRanges();
    selection.addRange(range);
    return range;
  }

  // Selects the word and brings it into view, its start first; answers its box in the view.
  function selectWord(first, firstOffset, last, lastOffset) {
    const range = rangeOf(first, firstOffset, last, lastOffset);
    let box = range.getBoundingClientRect();
    if (box.top < 0 || box.bottom > window.innerHeight || box.left < 0 || box.right > window.innerWidth) {
      const across = box.left < 0 || box.right > window.innerWidth ? box.left : 0;
      window.scrollBy(across, box.top);
      box = range.getBoundingClientRect();
    }
    return {
      left: Math.floor(box.left), top: Math.floor(box.top), right: Math.ceil(box.right),
      bottom: Math.ceil(box.bottom)
    };
  }

  // The word's text becomes Text, put into the text node where the word starts (so it takes that
  // node's formatting); the word's part in later nodes goes, with any inline element it leaves empty.
  // Nothing around the word changes: the engine's own typing would turn the blank after it into a
  // no-break space. All of it is one undo unit; answers the text as it is afterwards.
  function replaceWord(first, firstOffset, last, lastOffset, text) {
    runtime.state(false); // changes made before are not part of this unit
    rangeOf(first, firstOffset, last, lastOffset);
    const start = nodes[first];
    if (first === last) {
      start.replaceData(firstOffset, lastOffset - firstOffset, text);
    } else {
      start.replaceData(firstOffset, start.data.length - firstOffset, text);
      const end = nodes[last];
      end.deleteData(0, lastOffset);
      const emptied = nodes.slice(first + 1, last);
      if (end.data === '')
        emptied.push(end);
      for (const node of emptied) {
        let parent = node.parentNode;
        node.remove();
        while (parent && parent !== document.body && parent.childNodes.length === 0 && !parent.contains(start)) {
          const above = parent.parentNode;
          parent.remove();
          parent = above;
        }
      }
    }
    const range = document.createRange();
    range.setStart(start, firstOffset);
    range.setEnd(start, firstOffset + text.length);
    const selection = document.getSelection();
    selection.removeAllRanges();
    selection.addRange(range);
    return { result: { done: true, runs: textRuns() }, state: runtime.state(false) };
  }

  runtime.spellText = textRuns;
  runtime.spellSelect = selectWord;
  runtime.spellReplace = replaceWord;
})();
