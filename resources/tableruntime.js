// Page-side table editing of the design view, run after the design runtime in its world. It tells the
// design view where a press, a drag and a release happen in tables, at once in the capture phase (before
// the engine starts its own text selection), with the rectangles of the pressed table's cells; it answers
// snapshots of a table, applies a command's batch of changes as one undo unit, and draws the highlighted
// cells on a layer of its own outside the document. Which cells are highlighted and what a command
// changes is decided in C++.
(function () {
  'use strict';
  const runtime = window.__designRuntime;
  if (!runtime || !runtime.internal || runtime.tableSnapshot)
    return;
  const core = runtime.internal;

  // ---- where a pointer event happened --------------------------------------------------------------
  // Anything inside a cell (bold text, a link, an image ...) counts as the cell; a header cell counts as
  // no cell; inside a table but in no cell counts as the table. Null outside the body (layers, scroll bars).
  function place(target) {
    const element = target && target.nodeType === Node.ELEMENT_NODE ? target : target && target.parentElement;
    if (!element || !document.body || !document.body.contains(element))
      return null;
    const hit = element.closest('td, th, table');
    if (!hit || hit.tagName === 'TH')
      return { kind: 'other' };
    if (hit.tagName === 'TABLE')
      return { kind: 'table', table: hit };
    const row = hit.parentElement;
    const table = row && row.tagName === 'TR' ? row.closest('table') : null;
    return table ? { kind: 'cell', table: table, row: row, cell: hit } : { kind: 'other' };
  }

  function snapshot(table, rects, content) {
    const groups = [];
    const rows = [];
    for (const row of table.rows) {
      let group = groups.indexOf(row.parentNode);
      if (group < 0) {
        group = groups.length;
        groups.push(row.parentNode);
      }
      const cells = [];
      for (const cell of row.cells) {
        const item = [core.tokenOf(cell), cell.tagName, cell.rowSpan, cell.colSpan];
        if (rects)
          item.push(cell.offsetLeft, cell.offsetTop, cell.offsetLeft + cell.offsetWidth,
            cell.offsetTop + cell.offsetHeight);
        else
          item.push(-1, -1, -1, -1);
        if (content)
          item.push(cell.innerHTML);
        cells.push(item);
      }
      rows.push([core.tokenOf(row), group, cells]);
    }
    return {
      token: core.tokenOf(table), id: table.id, connected: !!document.body && document.body.contains(table),
      rows: rows
    };
  }

  function report(type, where, extra) {
    const payload = Object.assign({ type: type, kind: where.kind }, extra || {});
    if (where.table)
      payload.table = core.describe(where.table);
    if (where.row)
      payload.row = core.describe(where.row);
    if (where.cell)
      payload.cell = core.describe(where.cell);
    core.send('table', payload);
  }

  // The cell pressed with the left button and the cell last reported during the drag.
  let press = null;

  // On the window, so these run before the design runtime's own listeners on the document.
  window.addEventListener('mousedown', function (event) {
    const where = place(event.target);
    if (!where)
      return;
    const left = event.button === 0;
    press = left && where.kind === 'cell' ? { last: where.cell } : null;
    report('mousedown', where, press ? { left: true, grid: JSON.stringify(snapshot(where.table, true, false)) } : { left: left });
  }, true);

  window.addEventListener('mousemove', function (event) {
    if (!press)
      return;
    if (!(event.buttons & 1)) {
      press = null;
      return;
    }
    const where = place(event.target);
    if (!where || where.kind !== 'cell' || where.cell === press.last)
      return;
    press.last = where.cell;
    report('mousemove', where);
  }, true);

  window.addEventListener('mouseup', function (event) {
    press = null;
    const where = place(event.target);
    if (where)
      report('mouseup', where);
  }, true);

  // ---- batches of changes --------------------------------------------------------------------------
  function applyBatch(tableToken, changes) {
    const table = core.elementOf(tableToken);
    if (!document.body.contains(table))
      throw new Error('the table is no longer in the document');
    // An attribute taken away comes back last on undo: the elements losing one keep their order.
    const losing = [];
    for (const change of changes)
      if (change[0] === 'unset')
        losing.push(core.elementOf(change[1]));
    return core.unit(function () {
      const made = new Map();
      const rowOf = function (reference) {
        const row = reference < 0 ? made.get(reference) : core.elementOf(reference);
        if (!row || row.tagName !== 'TR')
          throw new Error('no such row');
        return row;
      };
      for (const change of changes) {
        switch (change[0]) {
        case 'row': {
          // Before the row at the index, in its row group; past the end after the last row.
          const rows = table.rows;
          const at = change[1];
          let row;
          if (at >= 0 && at < rows.length) {
            row = document.createElement('tr');
            rows[at].parentNode.insertBefore(row, rows[at]);
          } else if (rows.length) {
            row = document.createElement('tr');
            const last = rows[rows.length - 1];
            last.parentNode.insertBefore(row, last.nextSibling);
          } else {
            row = table.insertRow(-1);
          }
          made.set(change[2], row);
          break;
        }
        case 'cells': {
          const row = rowOf(change[1]);
          let at = change[2];
          if (at < 0 || at > row.cells.length)
            at = row.cells.length;
          for (let i = 0; i < change[3]; ++i)
            row.insertCell(at + i);
          break;
        }
        case 'move': {
          const cell = core.elementOf(change[1]);
          const row = rowOf(change[2]);
          const before = change[3] >= 0 ? row.cells[change[3]] : null;
          row.insertBefore(cell, before || null);
          break;
        }
        case 'remove': core.elementOf(change[1]).remove(); break;
        case 'set': core.elementOf(change[1]).setAttribute(change[2], change[3]); break;
        case 'unset': core.elementOf(change[1]).removeAttribute(change[2]); break;
        case 'html': core.elementOf(change[1]).innerHTML = change[2]; break;
        default: throw new Error('unknown table change ' + change[0]);
        }
      }
      return true;
    }, losing);
  }

  // ---- the highlight -------------------------------------------------------------------------------
  // One yellow mark over each highlighted cell, multiplied into the page so the text stays readable; the
  // layer hangs beside the body, so it is never part of the document, its undo units or its saved text.
  let layer = null;
  let lit = [];
  let follower = null;

  function placeMarks() {
    if (!layer)
      return;
    while (layer.children.length > lit.length)
      layer.lastChild.remove();
    for (let i = 0; i < lit.length; ++i) {
      let mark = layer.children[i];
      if (!mark) {
        mark = document.createElement('div');
        mark.setAttribute('style', 'position:absolute;margin:0;padding:0;border:0;background:yellow;' +
          'mix-blend-mode:multiply;pointer-events:none');
        layer.appendChild(mark);
      }
      const cell = lit[i];
      if (!cell.isConnected || !document.body.contains(cell)) {
        mark.style.display = 'none';
        continue;
      }
      const r = cell.getBoundingClientRect();
      mark.style.display = '';
      mark.style.left = (r.left + window.scrollX) + 'px';
      mark.style.top = (r.top + window.scrollY) + 'px';
      mark.style.width = r.width + 'px';
      mark.style.height = r.height + 'px';
    }
  }

  function highlight(tokens) {
    lit = [];
    for (const token of tokens) {
      try {
        lit.push(core.elementOf(token));
      } catch (e) {
        // a cell of a replaced page highlights nothing
      }
    }
    if (lit.length && !layer) {
      layer = document.createElement('div');
      layer.setAttribute('style', 'position:absolute;left:0;top:0;width:0;height:0;margin:0;padding:0;border:0;' +
        'pointer-events:none');
      document.documentElement.appendChild(layer);
    }
    // The marks follow the cells when the page changes under them (typing, commands, undo).
    if (lit.length && !follower && document.body) {
      follower = new MutationObserver(placeMarks);
      follower.observe(document.body, { subtree: true, childList: true, attributes: true, characterData: true });
    } else if (!lit.length && follower) {
      follower.disconnect();
      follower = null;
    }
    placeMarks();
    return lit.length;
  }

  window.addEventListener('resize', function () {
    if (lit.length)
      placeMarks();
  });

  Object.assign(runtime, {
    // As JSON text: thousands of small arrays cost far more to hand over as values.
    tableSnapshot: function (token, rects, content) {
      return { result: JSON.stringify(snapshot(core.elementOf(token), !!rects, !!content)), state: core.state(false) };
    },
    // A batch of changes, and the cells highlighted after it when they change (null when not).
    tableBatch: function (token, changes, lit) {
      const done = applyBatch(token, changes);
      if (lit)
        highlight(lit);
      return { result: done, state: core.state(false) };
    },
    tableHighlight: highlight,
    // The cells marked now, as tokens, each with whether its mark shows on the page.
    tableHighlighted: function () {
      const marks = layer ? Array.from(layer.children) : [];
      return lit.map(function (cell, i) {
        const r = marks[i] && marks[i].style.display !== 'none' ? marks[i].getBoundingClientRect() : null;
        return { token: core.tokenOf(cell), shown: !!r && r.width > 0 && r.height > 0 };
      });
    },
    tableUnselect: function () {
      const selection = document.getSelection();
      if (selection)
        selection.removeAllRanges();
      return true;
    },
    cellContents: function (tokens) {
      return tokens.map(function (token) { return core.elementOf(token).innerHTML; });
    },
    cellSpans: function (token) {
      const cell = core.elementOf(token);
      return [cell.rowSpan, cell.colSpan];
    }
  });
})();
