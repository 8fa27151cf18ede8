// The page's logic tests in one process: the suite's ctest runs it, and the mutation run runs it
// once per mutant (stryker.config.json).
import './virtual.test.mjs';
import './wording.test.mjs';
import './attention-rows.test.mjs';
import './attention-list.test.mjs';
import './columns.test.mjs';
import './journal-query.test.mjs';
import './session.test.mjs';
import './past-moment.test.mjs';
